// Several bases, overrides, inherited calls, arrays and static helpers.
include "gs.gs"

class Part
{
  public int weight;
  public int Weight(void) { return weight; }
  public string Describe(void) { return "part"; }
};

class Named
{
  public string title;
  public string Describe(void) { return title; }
};

class Engine isclass Part, Named
{
  public int power = 100;
  int[] cylinders;
  Part[] spares;

  public int Weight(void) { return inherited() + power / 10; }
  public string Describe(void) { return "engine " + power; }
  public int Spare(int i) { if (i < spares.size()) return spares[i].Weight(); return -1; }
};

static class Tools
{
  public int Double(int v) { return v * 2; }
  public float Double(float v) { return v * 2.0; }
};

class Garage
{
  public Engine engine;
  public int Total(void) { return Tools.Double(engine.Weight()); }
};
