// HTMLBuffer: HTML text built piece by piece; HTMLBufferStatic makes one.

class HTMLBuffer
{
  public native void Clear(void);
  public native bool IsEmpty(void);
  public native string AsString(void);
  public native void Print(string text);
  public native void Escape(string text);
};

static class HTMLBufferStatic
{
  public native HTMLBuffer Construct(void);
};
