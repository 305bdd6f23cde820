// A base class that train.gs includes.
class Vehicle
{
  public int speed;
  public string name = "vehicle";

  public void Accelerate(int amount)
  {
    speed = speed + amount;
  }

  public int Speed(void)
  {
    return speed;
  }
};
