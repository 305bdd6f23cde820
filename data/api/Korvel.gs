// Korvel: what every script may call without an object: the log, the clock
// and the asset database.

include "gs.gs"
include "asset.gs"
include "Library.gs"

class KorvelScriptBase
{
  public native float GetSeconds(void);
  public native Library GetLibrary(KUID kuid);
  public native Asset FindAsset(KUID kuid);
  public native Asset[] GetAssetList(string text);
  public native Asset[] GetAssetList(string text1, string text2);
  public native KUID[] SearchAssets(string text, bool flag);
  public native Asset[] FindUpdatedAssets(void);
  public native Soup KorvelSystemCall(string text, Soup soup);
  public native bool OpenURL(string text);
  public native void Log(string text);
};

static class Korvel isclass KorvelScriptBase
{
};
