// MapObject: an object with a place in the world.

include "KorvelGameObject.gs"

class MapObject isclass KorvelGameObject
{
  // The asset's own name, as the asset database knows it.
  public string GetLocalisedName(void)
  {
    Asset asset = GetAsset();
    if (asset)
      return asset.GetLocalisedName();
    return "";
  }
};
