// OnlineAccess and OnlineGroup as a library's script reaches them, with no
// online profile set: local data kept by the daemon, the post budget, the
// offline boxes, and groups that wait for a service that is not there.
include "Korvel.gs"
include "Constructors.gs"
include "Library.gs"

class OnlineProbe
{
  Soup ids = Constructors.NewSoup();

  OnlineAccess Access(string text)
  {
    ids.SetNamedTag("id", text);
    return Korvel.GetLibrary(ids.GetNamedTagAsKUID("id")).GetOnlineAccess();
  }

  public bool Same(string text, string other) { return Access(text) == Access(other); }
  public int Status(string text) { return Access(text).GetStatus(); }
  public string Username(string text) { return Access(text).GetUsername(); }

  public int Store(string text, string name, string value)
  {
    Soup soup = Constructors.NewSoup();
    soup.SetNamedTag("value", value);
    return Access(text).SetLocalData(name, soup);
  }
  public string Fetch(string text, string name)
  {
    Soup soup = Constructors.NewSoup();
    soup.SetNamedTag("value", "stale");
    Access(text).GetLocalData(name, soup);
    return soup.GetNamedTag("value");
  }
  public void FetchIntoConfig(string text)
  {
    Access(text).GetLocalData("x", Korvel.GetLibrary(ids.GetNamedTagAsKUID("id")).GetAsset().GetConfigSoup());
  }

  // The results of n posts, the last one's alone.
  public int Posts(string text, int n)
  {
    OnlineAccess access = Access(text);
    int result = -1;
    int i;
    for (i = 0; i < n; i++)
      result = access.PostMessage("friend", Constructors.NewSoup());
    return result;
  }
  public string Collect(string text)
  {
    string got = "old";
    int result = Access(text).CollectMessage(got, Constructors.NewSoup());
    return result + ":" + got;
  }

  public string Offline(string text)
  {
    OnlineAccess access = Access(text);
    Soup letter = Constructors.NewSoup();
    int first = access.PostOfflineMessage(letter);
    int second = access.PostOfflineMessage(letter);
    int collected = access.CollectOfflineMessage(letter);
    return first + "," + second + "," + collected;
  }

  public string Group(string text, string cookie)
  {
    OnlineAccess access = Access(text);
    OnlineGroup group;
    if (cookie == "")
      group = access.CreateGroup(3);
    else
      group = access.OpenGroup(cookie, 3);
    group.AddUser("anna");
    group.AddUser("anna");
    string got = "old";
    int collected = group.CollectMessage(got, Constructors.NewSoup());
    return group.GetStatus() + "," + group.CountUsers() + "," + group.FindUser("anna") + "," +
           group.FindUser("Anna") + "," + group.GetIndexedUser(5) + "," + group.GetOnlineGroupCookie() + "," +
           group.PostMessage(Constructors.NewSoup()) + "," + collected + ":" + got;
  }
};
