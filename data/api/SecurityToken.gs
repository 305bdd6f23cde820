// SecurityToken: rights that issuers grant to assets.

class SecurityToken
{
  public native bool IsOwnerLocallyModified(void);
};
