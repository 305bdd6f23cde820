// Every HTMLBuffer native as a script calls it: raw and escaped text, the
// empty flag, clearing, and the argument checks.
include "HTMLBuffer.gs"

class HtmlProbe
{
  HTMLBuffer buffer = HTMLBufferStatic.Construct();

  public bool Empty(void) { return buffer.IsEmpty(); }
  public string Text(void) { return buffer.AsString(); }
  public string Print(string text)
  {
    buffer.Print(text);
    return buffer.AsString();
  }
  public string Escape(string text)
  {
    buffer.Escape(text);
    return buffer.AsString();
  }
  public void Clear(void) { buffer.Clear(); }
  // Line breaks built here: the command line cannot carry them.
  public string Breaks(void)
  {
    HTMLBuffer b = HTMLBufferStatic.Construct();
    b.Escape("a\r\nb\n\rc\n\nd\re");
    return b.AsString();
  }
};
