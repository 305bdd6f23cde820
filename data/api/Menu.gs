// Menu: a list of entries a library can show from its system-menu icon.

include "gs.gs"

class Menu isclass GameObject
{
  public string[] items = new string[0];

  public void AddItem(string text) { items[items.size()] = text; }
  public int CountItems(void) { return items.size(); }
};
