// KUIDList: an ordered list of distinct asset ids.

include "kuid.gs"

class KUIDList
{
  public native int CountKUIDs(void);
  public native void AddKUID(KUID kuid);
  public native void RemoveKUID(KUID kuid);
  public native bool HasKUID(KUID kuid);
  public native KUID GetIndexedKUID(int value);
  public native void Copy(KUIDList list);
  public native void Clear(void);
  public native bool IsLocked(void);
};
