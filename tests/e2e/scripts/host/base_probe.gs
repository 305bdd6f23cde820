// The natives every script reaches through Korvel: the clock, the log, the
// asset searches, library look-ups and system calls.
include "Korvel.gs"
include "Constructors.gs"

class BaseProbe
{
  Soup ids = Constructors.NewSoup();

  KUID Id(string text)
  {
    if (text == "null")
      return null;
    ids.SetNamedTag("id", text);
    return ids.GetNamedTagAsKUID("id");
  }

  // The assets' ids in the order found, one blank after each.
  string Names(Asset[] assets)
  {
    string text = "";
    int i;
    for (i = 0; i < assets.size(); i++)
      text = text + assets[i].GetKUID().GetHTMLString() + " ";
    return text;
  }

  public string Kind(string kind) { return Names(Korvel.GetAssetList(kind)); }
  public string KindAndCodes(string kind, string codes) { return Names(Korvel.GetAssetList(kind, codes)); }
  public string Updated(void) { return Names(Korvel.FindUpdatedAssets()); }
  // Every found asset is the one object FindAsset gives for its id.
  public bool Shared(string kind)
  {
    Asset[] assets = Korvel.GetAssetList(kind);
    int i;
    for (i = 0; i < assets.size(); i++)
      if (assets[i] != Korvel.FindAsset(assets[i].GetKUID()))
        return false;
    return assets.size() > 0;
  }

  public string Search(string category, bool localOnly)
  {
    KUID[] found = Korvel.SearchAssets(category, localOnly);
    string text = "";
    int i;
    for (i = 0; i < found.size(); i++)
      text = text + found[i].GetHTMLString() + " ";
    return text;
  }

  public string Found(string text)
  {
    Asset asset = Korvel.FindAsset(Id(text));
    if (asset == null)
      return "none";
    return asset.GetLocalisedName();
  }
  public bool Library(string text) { return Korvel.GetLibrary(Id(text)) == null; }

  public int Called(string name, bool none)
  {
    Soup soup = Constructors.NewSoup();
    soup.SetNamedTag("question", "time");
    if (none)
      soup = null;
    Soup answer = Korvel.KorvelSystemCall(name, soup);
    if (answer == null)
      return -1;
    return answer.CountTags();
  }
  public bool Opened(string address) { return Korvel.OpenURL(address); }
  public void Logged(string text) { Korvel.Log(text); }
  public bool Clock(void) { return Korvel.GetSeconds() >= 0.0; }
};
