// Asset: one installed asset, looked at through the asset database.

include "Soup.gs"
include "KUIDList.gs"
include "StringTable.gs"
include "Image.gs"

class Asset
{
  public native KUID GetKUID(void);
  public native string GetLocalisedName(void);
  public native string GetLocalisedDescription(void);
  public native string GetCreatorName(void);
  public native KUID LookupKUIDTable(string text);
  public native Asset FindAsset(string text);
  public native StringTable GetStringTable(void);
  public native Soup GetConfigSoup(void);
  public native KUIDList GetDependencyList(void);
  public native bool SupportsKorvelBuildVersion(float amount);
  public native Image LoadImage(string text);
  public native bool IsLocallyModified(void);
  public native string GetInfoURL(void);
  public native bool GetIsFavorite(void);
  public native void SetIsFavorite(bool flag);
  public native Asset GetParent(void);
  public native string GetCategoryEra(void);
  public native string GetCategoryRegion(void);
};
