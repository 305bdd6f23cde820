// OnlineAccess: the online service as a script library sees it.

include "gs.gs"
include "Soup.gs"
include "OnlineGroup.gs"

class OnlineAccess
{
  public native void Connect(void);
  public native int GetStatus(void);
  public native void Disconnect(void);
  public native string GetUsername(void);
  public native int GetLocalData(string text, Soup soup);
  public native int SetLocalData(string text, Soup soup);
  public native int GetProfileData(string text, Soup soup);
  public native int SetProfileData(string text, Soup soup);
  public native int PostMessage(string text, Soup soup);
  public native int CollectMessage(string text, Soup soup);
  public native OnlineGroup CreateGroup(int value);
  public native OnlineGroup OpenGroup(string text, int value);
  public native int PostOfflineMessage(Soup soup);
  public native int CollectOfflineMessage(Soup soup);
};
