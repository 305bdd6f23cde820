// Every KUIDList native as a script calls it: distinct ids in order, the
// index range, copies and the lock of a list handed out by an asset.
include "Constructors.gs"

class KuidListProbe
{
  KUIDList list = Constructors.NewKUIDList();
  Soup ids = Constructors.NewSoup();

  KUID Id(string text)
  {
    ids.SetNamedTag("id", text);
    return ids.GetNamedTagAsKUID("id");
  }

  public int Add(string text)
  {
    list.AddKUID(Id(text));
    return list.CountKUIDs();
  }
  public void Remove(string text) { list.RemoveKUID(Id(text)); }
  public bool Has(string text) { return list.HasKUID(Id(text)); }
  public string At(int index) { return list.GetIndexedKUID(index).GetHTMLString(); }
  public string All(void)
  {
    string text = "";
    int i;
    for (i = 0; i < list.CountKUIDs(); i++)
      text = text + list.GetIndexedKUID(i).GetHTMLString();
    return text;
  }
  public int CopyOther(void)
  {
    KUIDList other = Constructors.NewKUIDList();
    other.AddKUID(Id("<kuid:9:9>"));
    other.Copy(list);
    return other.CountKUIDs();
  }
  public int CopySelf(void)
  {
    list.Copy(list);
    return list.CountKUIDs();
  }
  public int Cleared(void)
  {
    list.Clear();
    return list.CountKUIDs();
  }
  public bool Locked(void) { return list.IsLocked(); }
  public void AddNull(void)
  {
    KUID none = null;
    list.AddKUID(none);
  }
  public bool HasNull(void)
  {
    KUID none = null;
    return list.HasKUID(none);
  }
  public void CopyNull(void)
  {
    KUIDList none = null;
    list.Copy(none);
  }
  public void AddBare(void)
  {
    KUID bare = new KUID();
    list.AddKUID(bare);
  }
  // The same id object is shared: the list holds ids, not objects.
  public bool SameObject(void) { return list.GetIndexedKUID(0) == Id("<kuid:1:1>"); }
};
