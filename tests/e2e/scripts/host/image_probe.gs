// Images as scripts draw on them: shapes, other images and TrueType text,
// sizes and resizing, the soups of export and import, and bad arguments.
include "Constructors.gs"

class ImageProbe
{
  Image image = Constructors.NewImage();
  Image stamp = Constructors.NewImage();

  // The picture of the golden: every shape, a stamped image and two texts.
  public int Draw(void)
  {
    image.SetFillColor(0.1, 0.15, 0.3, 1.0);
    image.Clear(180, 64);
    image.SetFillColor(0.9, 0.6, 0.1, 1.0);
    image.SetLineColor(1.0, 1.0, 1.0, 1.0);
    image.DrawRect(4, 4, 60, 30);
    image.DrawCircle(150, 30, 22);
    image.SetFillColor(0.2, 0.8, 0.3, 0.6);
    image.DrawTriangle(70, 60, 100, 8, 120, 60);
    image.DrawLine(-20, 63, 200, 40);
    image.SetLineColor(1.0, 0.2, 0.2, 1.0);
    image.DrawPoint(176, 2);
    image.DrawPoint(-1, -1);

    stamp.SetFillColor(1.0, 1.0, 1.0, 1.0);
    stamp.Clear(6, 6);
    stamp.SetFillColor(0.0, 0.0, 0.0, 1.0);
    stamp.SetLineColor(0.0, 0.0, 0.0, 1.0);
    stamp.DrawRect(0, 0, 3, 3);
    stamp.DrawRect(3, 3, 6, 6);
    image.DrawImage(168, 50, stamp);
    image.DrawImage(160, 40, 166, 46, stamp, 0, 0, 6, 6);

    image.SetTextFont("DejaVu Sans", 14);
    image.SetLineColor(1.0, 1.0, 0.6, 1.0);
    image.DrawText(8, 40, "Image été €5");
    image.SetLineColor(0.0, 0.0, 0.0, 1.0);
    image.DrawText(10, 10, "Box");
    return image.GetWidth() * 1000 + image.GetHeight();
  }

  public int Measure(string face, int height, string text)
  {
    image.SetTextFont(face, height);
    return image.MeasureTextWidth(text);
  }
  public void Words(string text) { image.DrawText(0, 0, text); }
  public void Face(string face) { image.SetTextFont(face, 12); }

  // An image without pixels: sizes 0, and drawing on it does nothing.
  public int NoPixels(int width, int height)
  {
    Image other = Constructors.NewImage();
    other.Clear(width, height);
    other.DrawRect(0, 0, 4, 4);
    other.DrawText(0, 0, "x");
    return other.GetWidth() * 1000 + other.GetHeight();
  }
  public int Resized(int width, int height, bool stretch)
  {
    image.Resize(width, height, stretch);
    return image.GetWidth() * 1000 + image.GetHeight();
  }

  public bool ExportIsEmptyAndLocked(void)
  {
    Soup soup = image.ExportImage();
    return soup.IsLocked() and soup.CountTags() == 0;
  }
  public void Import(bool none)
  {
    Soup soup = Constructors.NewSoup();
    if (none)
      soup = null;
    image.ImportImage(soup);
  }
  public void DrawNone(void)
  {
    Image none = null;
    image.DrawImage(0, 0, none);
  }
};
