// Library: an asset's script library object, shared by everything that asks
// for it; it reaches the online service, issues security tokens and owns an
// icon in the system menu.

include "KorvelGameObject.gs"
include "SecurityToken.gs"
include "OnlineAccess.gs"
include "Menu.gs"

class Library isclass KorvelGameObject
{
  public native OnlineAccess GetOnlineAccess(void);
  public native string LibraryCallNative(string text, string[] texts, GSObject[] objects);
  public native SecurityToken IssueSecurityToken(KUID kuid, string[] texts);
  public native SecurityToken IssueSecurityToken(SecurityToken token, KUID kuid, string[] texts);
  public native SecurityToken MergeSecurityTokens(SecurityToken[] tokens);
  public native bool Validate(SecurityToken token, Library library, string text);
  public native bool Validate(SecurityToken token, KUID kuid, string text);
  public native void AddSystemMenuIcon(Asset asset, string text1, string text2);
  public native void BlinkSystemMenuIcon(int value);
  public native void RemoveSystemMenuIcon(void);
  public native void ShowSystemMenuIconMenu(Menu menu);
};
