// Soup: a tree of named tags. Soups a script makes are writable; soups
// handed out over data owned elsewhere are locked.

include "kuid.gs"

class Soup
{
  public native int CountTags(void);
  public native string GetNamedTag(string text);
  public native Soup GetNamedSoup(string text);
  public native string GetIndexedTagName(int value);
  public native int GetIndexForNamedTag(string text);
  public native KUID GetNamedTagAsKUID(string text);
  public native int GetNamedTagAsInt(string text);
  public native int GetNamedTagAsInt(string text, int value);
  public native float GetNamedTagAsFloat(string text);
  public native float GetNamedTagAsFloat(string text, float amount);
  public native void SetNamedTag(string text1, string text2);
  public native void SetNamedTag(string text, float amount);
  public native void SetNamedTag(string text, int value);
  public native void SetNamedTag(string text, KUID kuid);
  public native void SetNamedSoup(string text, Soup soup);
  public native void RemoveNamedTag(string text);
  public native void Copy(Soup soup);
  public native void Clear(void);
  public native bool IsLocked(void);
  public native void AddUniqueNamedSoup(Soup soup);
  public native void Log(void);
};
