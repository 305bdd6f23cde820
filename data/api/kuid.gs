// KUID: an asset id as scripts see it.

class KUID
{
  public native string GetName(void);
  public native string GetHTMLString(void);
  public native string GetLogString(void);
  public native string GetBaseString(void);
  public native KUID GetBaseKUID(void);
};
