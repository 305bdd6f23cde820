// A train: derives from Vehicle and counts its cars.
include "vehicle.gs"

class Train isclass Vehicle
{
  int cars = 3;

  public void Couple(int count)
  {
    int i;
    for (i = 0; i < count; i++)
    {
      if (cars < 40)
        cars = cars + 1;
      else
        Accelerate(-1);
    }
  }

  public string Describe(void)
  {
    return name + " with " + cars + " cars";
  }
};
