// Trackside: an object placed beside a track.

include "MapObject.gs"

class Trackside isclass MapObject
{
  // Trackside objects may answer the state of the track they stand by; by
  // default they have nothing to say.
  public int GetTrackState(void) { return 0; }
};
