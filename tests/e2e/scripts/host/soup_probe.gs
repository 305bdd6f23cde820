// Every Soup native as a script calls it: reads with their defaults, writes
// with the lock rules, shared sub-soups, copies and unique names.
include "Constructors.gs"

class SoupProbe
{
  Soup soup = Constructors.NewSoup();
  Soup child = Constructors.NewSoup();

  // Names are lower-cased on both sides.
  public int IntTag(string setName, string getName, int value)
  {
    soup.SetNamedTag(setName, value);
    return soup.GetNamedTagAsInt(getName);
  }
  public int IntOr(string name, int value) { return soup.GetNamedTagAsInt(name, value); }
  public float FloatTag(string name, float value)
  {
    soup.SetNamedTag(name, value);
    return soup.GetNamedTagAsFloat(name);
  }
  public float FloatOr(string name, float value) { return soup.GetNamedTagAsFloat(name, value); }
  public string Text(string name, string text)
  {
    soup.SetNamedTag(name, text);
    return soup.GetNamedTag(name);
  }
  public string Read(string name) { return soup.GetNamedTag(name); }
  public int Count(void) { return soup.CountTags(); }
  public string NameAt(int index) { return soup.GetIndexedTagName(index); }
  public int IndexOf(string name) { return soup.GetIndexForNamedTag(name); }
  public void Remove(string name) { soup.RemoveNamedTag(name); }

  public string KuidTag(string name, string text)
  {
    soup.SetNamedTag("text", text);
    soup.SetNamedTag(name, soup.GetNamedTagAsKUID("text"));
    KUID read = soup.GetNamedTagAsKUID(name);
    if (read == null)
      return "none";
    return read.GetHTMLString();
  }
  public string NullKuidTag(string name)
  {
    KUID none = null;
    soup.SetNamedTag(name, none);
    return soup.GetNamedTag(name);
  }
  public bool MissingKuid(string name) { return soup.GetNamedTagAsKUID(name) == null; }

  // Sub-soups are stored by reference and handed out locked.
  public string Shared(void)
  {
    soup.SetNamedSoup("child", child);
    child.SetNamedTag("late", "seen");
    return soup.GetNamedSoup("child").GetNamedTag("late");
  }
  public bool SubLocked(void) { return soup.GetNamedSoup("child").IsLocked(); }
  public bool MissingSubLocked(void) { return soup.GetNamedSoup("nothing").IsLocked(); }
  public int MissingSubCount(void) { return soup.GetNamedSoup("nothing").CountTags(); }
  public bool OwnLocked(void) { return soup.IsLocked(); }
  public void WriteLocked(void) { soup.GetNamedSoup("child").SetNamedTag("x", "y"); }
  public void WriteLockedInt(void) { soup.GetNamedSoup("child").SetNamedTag("x", 1); }
  public void WriteLockedFloat(void) { soup.GetNamedSoup("child").SetNamedTag("x", 1.5); }
  public void WriteLockedKuid(void)
  {
    KUID none = null;
    soup.GetNamedSoup("child").SetNamedTag("x", none);
  }
  public void RemoveLocked(void) { soup.GetNamedSoup("child").RemoveNamedTag("late"); }
  public void ClearLocked(void) { soup.GetNamedSoup("child").Clear(); }
  public void CopyLocked(void) { soup.GetNamedSoup("child").Copy(soup); }
  public void NestLocked(void) { soup.GetNamedSoup("child").SetNamedSoup("x", child); }
  public void AddUniqueLocked(void) { soup.GetNamedSoup("child").AddUniqueNamedSoup(child); }
  public void NestLockedChild(void) { soup.SetNamedSoup("x", soup.GetNamedSoup("child")); }
  public void AddUniqueLockedChild(void) { soup.AddUniqueNamedSoup(soup.GetNamedSoup("child")); }
  public string StillThere(void) { return soup.GetNamedSoup("child").GetNamedTag("late"); }

  public string Unique(void)
  {
    Soup target = Constructors.NewSoup();
    target.SetNamedTag("1", "taken");
    target.AddUniqueNamedSoup(Constructors.NewSoup());
    target.AddUniqueNamedSoup(Constructors.NewSoup());
    return target.GetIndexedTagName(1) + "," + target.GetIndexedTagName(2);
  }

  public int CopyOther(void)
  {
    Soup dup = Constructors.NewSoup();
    dup.SetNamedTag("old", 1);
    dup.Copy(soup);
    soup.SetNamedTag("after", 1);
    return dup.CountTags() * 100 + soup.CountTags();
  }
  public int CopySelf(void)
  {
    soup.Copy(soup);
    return soup.CountTags();
  }
  public int Cleared(void)
  {
    soup.SetNamedTag("a", 1);
    soup.Clear();
    return soup.CountTags();
  }
  public void CopyNull(void)
  {
    Soup none = null;
    soup.Copy(none);
  }
  public void NestNull(void)
  {
    Soup none = null;
    soup.SetNamedSoup("x", none);
  }
  // A Soup made by "new" has no soup behind it: a wrong object for a native.
  public void CopyBare(void)
  {
    Soup bare = new Soup();
    soup.Copy(bare);
  }
  public void Log(void)
  {
    Soup logged = Constructors.NewSoup();
    logged.SetNamedTag("speed", 12);
    logged.Log();
  }
};
