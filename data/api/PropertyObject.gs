// PropertyObject: a game object whose settings travel as a soup of
// properties, saved with the session and restored before it runs again.

include "gs.gs"
include "Soup.gs"
include "Constructors.gs"

class PropertyObject isclass GameObject
{
  // The properties the object was saved with; objects that keep settings
  // read theirs back from the soup.
  public void SetProperties(Soup soup) { }

  // The properties to save; an object without settings gives an empty soup.
  public Soup GetProperties(void)
  {
    return Constructors.NewSoup();
  }
};
