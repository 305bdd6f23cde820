// Asset ids as scripts meet them: read from a soup, shared per context,
// written as tag texts and reduced to their base id.
include "Constructors.gs"

class KuidProbe
{
  Soup ids = Constructors.NewSoup();

  KUID Id(string text)
  {
    ids.SetNamedTag("id", text);
    return ids.GetNamedTagAsKUID("id");
  }

  public string Html(string text) { return Id(text).GetHTMLString(); }
  public string LogText(string text) { return Id(text).GetLogString(); }
  public string Base(string text) { return Id(text).GetBaseString(); }
  public string Name(string text) { return Id(text).GetName(); }
  public bool Shared(string text) { return Id(text) == Id(text); }

  public string BaseKUID(string text)
  {
    KUID base = Id(text).GetBaseKUID();
    if (base == null)
      return "none";
    return base.GetHTMLString();
  }

  // The KUID of a tag that is not there: the factory is not asked.
  public bool Missing(void) { return ids.GetNamedTagAsKUID("absent") == null; }
};
