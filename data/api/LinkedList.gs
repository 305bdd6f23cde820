// LinkedList: a script list of LinkedData items, appended and sorted by natives.

include "gs.gs"

// One item of a LinkedList. The natives compare the name, the value and the
// data (the same object), and sort on the name; they read these three by
// position, so the order of the members is part of the class.
class LinkedData
{
  public int tag;
  public string name;
  public int value;
  public GSObject data;
};

class LinkedList
{
  public LinkedData[] items = new LinkedData[0];

  public native void AddInternal(LinkedData[] items, LinkedData data, bool flag);
  public native void SortInternal(LinkedData[] items);

  public void Add(LinkedData data, bool unique) { AddInternal(items, data, unique); }
  public void Sort(void) { SortInternal(items); }
};
