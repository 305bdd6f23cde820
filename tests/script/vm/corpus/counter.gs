// The language manual's example: a game object with initialised members.
include "gs.gs"

class Counter isclass GameObject
{
  int count = 0;
  string name = "counter";

  public void Add(int amount)
  {
    int i;
    for (i = 0; i < amount; i++)
      count = count + 1;
  }

  public string Describe(void)
  {
    return name + ": " + count;
  }
};
