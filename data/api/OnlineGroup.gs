// OnlineGroup: a group of users of the online service that exchange messages.

include "gs.gs"
include "Soup.gs"

class OnlineGroup
{
  public native void Connect(void);
  public native int GetStatus(void);
  public native void Disconnect(void);
  public native string GetOnlineGroupCookie(void);
  public native void AddUser(string text);
  public native void RemoveUser(string text);
  public native int CountUsers(void);
  public native string GetIndexedUser(int value);
  public native int FindUser(string text);
  public native int GetUserStatus(int value);
  public native int PostMessage(Soup soup);
  public native int CollectMessage(string text, Soup soup);
  public native void SetModeFlags(int value1, int value2);
  public native void SetUserModeFlags(string text, int value1, int value2);
};
