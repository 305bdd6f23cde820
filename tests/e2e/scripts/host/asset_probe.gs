// Every Asset native as a script calls it, on installed assets found
// through their ids, with their string tables and kuid-tables.
include "Korvel.gs"
include "Constructors.gs"

class AssetProbe
{
  Soup ids = Constructors.NewSoup();

  KUID Id(string text)
  {
    ids.SetNamedTag("id", text);
    return ids.GetNamedTagAsKUID("id");
  }
  Asset Find(string text) { return Korvel.FindAsset(Id(text)); }

  public bool Missing(string text) { return Find(text) == null; }
  public bool Same(string text) { return Find(text) == Find(text); }
  public bool SameAs(string text, string other) { return Find(text) == Find(other); }
  public string Kuid(string text) { return Find(text).GetKUID().GetHTMLString(); }
  public string Name(string text) { return Find(text).GetLocalisedName(); }
  public string KuidName(string text) { return Id(text).GetName(); }
  public string Description(string text) { return Find(text).GetLocalisedDescription(); }
  public string Creator(string text) { return Find(text).GetCreatorName(); }
  public string Era(string text) { return Find(text).GetCategoryEra(); }
  public string Region(string text) { return Find(text).GetCategoryRegion(); }
  public string InfoURL(string text) { return Find(text).GetInfoURL(); }
  public bool Supports(string text, float build) { return Find(text).SupportsKorvelBuildVersion(build); }
  public bool Modified(string text) { return Find(text).IsLocallyModified(); }
  public bool Favorite(string text) { return Find(text).GetIsFavorite(); }
  public bool SetFavorite(string text, bool flag)
  {
    Asset asset = Find(text);
    asset.SetIsFavorite(flag);
    return asset.GetIsFavorite();
  }
  public string Parent(string text)
  {
    Asset parent = Find(text).GetParent();
    if (parent == null)
      return "none";
    return parent.GetKUID().GetHTMLString();
  }

  public string Lookup(string text, string name) { return Find(text).LookupKUIDTable(name).GetHTMLString(); }
  public string FindByName(string text, string name)
  {
    Asset other = Find(text).FindAsset(name);
    if (other == null)
      return "none";
    return other.GetLocalisedName();
  }
  public bool FoundIsShared(string text, string name) { return Find(text).FindAsset(name) == Find(text).FindAsset(name); }

  public string ConfigTag(string text, string tag) { return Find(text).GetConfigSoup().GetNamedTag(tag); }
  public bool ConfigLocked(string text) { return Find(text).GetConfigSoup().IsLocked(); }
  public void ConfigWrite(string text) { Find(text).GetConfigSoup().SetNamedTag("kind", "x"); }

  public string Dependencies(string text)
  {
    KUIDList list = Find(text).GetDependencyList();
    string result = "";
    int i;
    for (i = 0; i < list.CountKUIDs(); i++)
      result = result + list.GetIndexedKUID(i).GetHTMLString();
    if (list.IsLocked())
      result = result + " locked";
    return result;
  }
  public void DependenciesWrite(string text) { Find(text).GetDependencyList().AddKUID(Id(text)); }

  StringTable table;
  public bool Table(string text)
  {
    table = Find(text).GetStringTable();
    return table != null;
  }
  public string Language(void) { return table.GetLanguage(); }
  public void SetParam(int index, string value) { table.SetParam(index, value); }
  public void ClearParams(void) { table.ClearParams(); }
  public string Text(string key) { return table.GetString(key); }
};
