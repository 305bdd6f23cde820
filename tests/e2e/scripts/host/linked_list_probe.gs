// The LinkedList natives as the script list class calls them: appending
// with and without the uniqueness test, and sorting by name.
include "LinkedList.gs"

class LinkedProbe
{
  LinkedList list = new LinkedList();
  GSObject shared = new GSObject();

  LinkedData Item(string name, int value, bool withData)
  {
    LinkedData item = new LinkedData();
    item.name = name;
    item.value = value;
    if (withData)
      item.data = shared;
    return item;
  }

  public int Add(string name, int value, bool withData, bool unique)
  {
    list.Add(Item(name, value, withData), unique);
    return list.items.size();
  }
  public void AddNull(bool unique)
  {
    LinkedData none = null;
    list.Add(none, unique);
  }
  public void AddNameless(bool unique)
  {
    LinkedData item = new LinkedData();
    list.Add(item, unique);
  }
  public string Names(void)
  {
    string text = "";
    int i;
    for (i = 0; i < list.items.size(); i++) {
      if (list.items[i] == null)
        text = text + "-";
      else
        text = text + list.items[i].name + ":" + list.items[i].value + ",";
    }
    return text;
  }
  public string Sort(void)
  {
    list.Sort();
    return Names();
  }
  public void PlaceNull(int index) { list.items[index] = null; }
  public void SortNullArray(void)
  {
    LinkedData[] none = null;
    list.SortInternal(none);
  }
};
