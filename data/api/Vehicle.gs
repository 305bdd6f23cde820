// Vehicle: a rolling-stock object that runs on track. Every vehicle counts
// as trackside too: the class check of a vehicle asset asks for both.

include "Trackside.gs"

class Vehicle isclass Trackside
{
  float m_speed = 0.0;

  // Metres per second, forward positive.
  public float GetVelocity(void) { return m_speed; }

  public void SetVelocity(float speed) { m_speed = speed; }
};
