// LinkedList: a script list of LinkedData items, appended and sorted by natives.

// One item of a LinkedList; the list sorts on the name.
class LinkedData
{
  public string name;
};

class LinkedList
{
  public LinkedData[] items = new LinkedData[0];

  public native void AddInternal(LinkedData[] items, LinkedData data, bool flag);
  public native void SortInternal(LinkedData[] items);

  public void Add(LinkedData data, bool unique) { AddInternal(items, data, unique); }
  public void Sort(void) { SortInternal(items); }
};
