// Signal: a trackside object that shows a state to approaching vehicles.

include "Trackside.gs"

class Signal isclass Trackside
{
  public define int STOP = 0;
  public define int CAUTION = 1;
  public define int PROCEED = 2;

  int m_state = STOP;

  public int GetSignalState(void) { return m_state; }

  public void SetSignalState(int state)
  {
    if (state < STOP or state > PROCEED)
      return;
    m_state = state;
  }
};
