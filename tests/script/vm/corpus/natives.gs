// Calls into every static core class and the game object natives, so that
// linking binds each overload by its own signature.
include "gs.gs"

class Caller isclass GameObject
{
  public float Noise(void) { return Math.Rand(0.0, 1.0) + Math.Sqrt(2.0); }
  public int Dice(void) { return Math.Rand(1, 7); }
  public string Word(string text) { Str.TrimLeft(text, " "); return Str.UnpackString(text); }
  public int Where(string text) { return Str.Find(text, "x", 0) + Str.ToInt("12"); }
  public GameObject ById(int id) { return Router.GetGameObject(id); }
  public GameObject ByName(string name) { return Router.GetGameObject(name); }
  public void Talk(GameObject other)
  {
    SendMessage(other, "Talk", "Hello");
    PostMessage(other, "Talk", "Later", 1.5);
    Sleep(0.5);
  }
  thread void Listen(void)
  {
    Message m;
    wait()
    {
      on "Talk", "", m: { Exception(m.minor); }
    }
  }
};
