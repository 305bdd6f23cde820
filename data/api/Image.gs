// Image: a bitmap scripts draw on, with TrueType text.

include "Soup.gs"

class Image
{
  public native void Clear(int value1, int value2);
  public native void Resize(int value1, int value2, bool flag);
  public native int GetWidth(void);
  public native int GetHeight(void);
  public native void SetLineColor(float amount1, float amount2, float amount3, float amount4);
  public native void SetFillColor(float amount1, float amount2, float amount3, float amount4);
  public native void DrawPoint(int value1, int value2);
  public native void DrawRect(int value1, int value2, int value3, int value4);
  public native void DrawLine(int value1, int value2, int value3, int value4);
  public native void DrawCircle(int value1, int value2, int value3);
  public native void DrawTriangle(int value1, int value2, int value3, int value4, int value5, int value6);
  public native void DrawImage(int value1, int value2, Image image);
  public native void DrawImage(int value1, int value2, int value3, int value4, Image image);
  public native void DrawImage(int value1, int value2, int value3, int value4, Image image, int value5, int value6, int value7, int value8);
  public native void SetTextFont(string text, int value);
  public native int MeasureTextWidth(string text);
  public native void DrawText(int value1, int value2, string text);
  public native Soup ExportImage(void);
  public native void ImportImage(Soup soup);
};
