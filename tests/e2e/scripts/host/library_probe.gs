// Library objects as scripts reach them through Korvel.GetLibrary: one per
// asset, their own classes, calls into their plug-ins and security tokens.
include "Korvel.gs"
include "Constructors.gs"
include "SecurityToken.gs"

class LibraryProbe
{
  Soup ids = Constructors.NewSoup();

  KUID Id(string text)
  {
    if (text == "null")
      return null;
    ids.SetNamedTag("id", text);
    return ids.GetNamedTagAsKUID("id");
  }

  public bool Same(string text)
  {
    Library first = Korvel.GetLibrary(Id(text));
    return first != null and first == Korvel.GetLibrary(Id(text));
  }

  // The library's script class and the name of the asset its Init was given.
  public string Describe(string text)
  {
    Library library = Korvel.GetLibrary(Id(text));
    if (library == null)
      return "none";
    Asset asset = library.GetAsset();
    if (asset == null)
      return library.GetGSClassName() + " without asset";
    return library.GetGSClassName() + " of " + asset.GetLocalisedName();
  }

  // Texts "a" and "b" (or a null array), the second left null when asked.
  public string Call(string text, string function, bool noArray, bool nullSecond)
  {
    Library library = Korvel.GetLibrary(Id(text));
    string[] texts = new string[2];
    texts[0] = "a";
    if (!nullSecond)
      texts[1] = "b";
    if (noArray)
      texts = null;
    return library.LibraryCallNative(function, texts, null);
  }

  SecurityToken Issue(string issuerText, string holderText, string right)
  {
    Library issuer = Korvel.GetLibrary(Id(issuerText));
    string[] rights = new string[1];
    rights[0] = right;
    return issuer.IssueSecurityToken(Id(holderText), rights);
  }

  // Whether the holder finds the right in a token the issuer gave it.
  public bool Granted(string issuerText, string holderText, string right, string asked)
  {
    SecurityToken token = Issue(issuerText, holderText, right);
    Library holder = Korvel.GetLibrary(Id(holderText));
    return holder.Validate(token, Korvel.GetLibrary(Id(issuerText)), asked);
  }
  public bool GrantedById(string issuerText, string holderText, string right, string asked, string askedIssuer)
  {
    SecurityToken token = Issue(issuerText, holderText, right);
    Library holder = Korvel.GetLibrary(Id(holderText));
    return holder.Validate(token, Id(askedIssuer), asked);
  }
  public bool Merged(string issuerText, string holderText)
  {
    SecurityToken[] tokens = new SecurityToken[2];
    tokens[0] = Issue(issuerText, holderText, "read");
    tokens[1] = Issue(issuerText, holderText, "write");
    Library holder = Korvel.GetLibrary(Id(holderText));
    Library issuer = Korvel.GetLibrary(Id(issuerText));
    SecurityToken merged = issuer.MergeSecurityTokens(tokens);
    return holder.Validate(merged, issuer, "read") and holder.Validate(merged, issuer, "write");
  }

  public void Icon(string text)
  {
    Library library = Korvel.GetLibrary(Id(text));
    library.AddSystemMenuIcon(library.GetAsset(), "tip", "");
    library.BlinkSystemMenuIcon(3);
    library.RemoveSystemMenuIcon();
  }
  public void IconWithoutAsset(string text)
  {
    Korvel.GetLibrary(Id(text)).AddSystemMenuIcon(null, "", "");
  }
};
