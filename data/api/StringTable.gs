// StringTable: the translatable texts of an asset, with positional parameters.

class StringTable
{
  public native string GetLanguage(void);
  public native void ClearParams(void);
  public native void SetParam(int value, string text);
  public native string GetString(string text);
};
