// KorvelGameObject: a script object that belongs to an asset; Init hands it
// that asset before anything else runs.

include "PropertyObject.gs"
include "asset.gs"

class KorvelGameObject isclass PropertyObject
{
  Asset m_asset;

  public void Init(Asset asset) { m_asset = asset; }

  // The asset this object was made for; null before Init.
  public Asset GetAsset(void) { return m_asset; }
};
