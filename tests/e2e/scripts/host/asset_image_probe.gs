// Images loaded from installed assets' folders and made by the constructor,
// as scripts see them: sizes, and null for what cannot be loaded.
include "Korvel.gs"
include "Constructors.gs"

class AssetImageProbe
{
  Soup ids = Constructors.NewSoup();

  Asset Find(string text)
  {
    ids.SetNamedTag("id", text);
    return Korvel.FindAsset(ids.GetNamedTagAsKUID("id"));
  }

  int Size(Image image)
  {
    if (image == null)
      return -1;
    return image.GetWidth() * 1000 + image.GetHeight();
  }

  // The image of the asset's file: its size, -1 when there is none.
  public int Loaded(string id, string file) { return Size(Find(id).LoadImage(file)); }

  // A new image has no pixels until cleared; the loaded one drawn on it.
  public int Fresh(void)
  {
    Image image = Constructors.NewImage();
    return Size(image);
  }
  public int Stamped(string id, string file)
  {
    Image image = Constructors.NewImage();
    Image loaded = Find(id).LoadImage(file);
    image.SetFillColor(0.0, 0.0, 1.0, 1.0);
    image.Clear(5, 4);
    image.DrawImage(0, 0, loaded);
    return Size(image);
  }
};
