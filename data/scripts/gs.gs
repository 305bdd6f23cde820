// The core script library: the classes the script machine itself provides.
// Every native here is bound by its exact signature text, so a change of a
// name, a result or an argument type unbinds it.

// The root of script objects.
class GSObject
{
  // The name of the object's script class.
  public native string GetGSClassName(void);
};

// An object that lives in the message router: it sends, posts and receives
// messages, runs threads and handlers.
class GameObject isclass GSObject
{
  public native void SendMessage(GameObject dst, string major, string minor);
  public native void PostMessage(GameObject dst, string major, string minor, float seconds);
  public native void ClearMessages(string major, string minor);
  public native void AddHandler(GameObject target, string major, string minor, string handler);
  public native void Sniff(GameObject target, string major, string minor, bool enable);
  public native void Sleep(float seconds);
  public native int GetId(void);
  public native string GetName(void);
  public native void Exception(string reason);
};

// A routed message as handlers and waiting threads receive it. It has no
// base class: the machine fills its members by position, major and minor
// first, then the source and destination objects.
class Message
{
  public string major;
  public string minor;
  public GameObject src;
  public GameObject dst;
};

// The router of the script's world.
static class Router
{
  public native GameObject GetGameObject(int id);
  public native GameObject GetForeignGameObject(int id);
  public native GameObject GetGameObject(string name);
  public native void Info(void);
  public native void PostMessage(int src, int dst, string major, string minor, float seconds);
};

// Text helpers; the string arguments they change are changed in place.
static class Str
{
  public native void TrimLeft(string s, string set);
  public native void TrimRight(string s, string set);
  public native int ToInt(string s);
  public native float ToFloat(string s);
  public native void ToUpper(string s);
  public native void ToLower(string s);
  public native string[] Tokens(string s, string separators);
  public native int UnpackInt(string s);
  public native float UnpackFloat(string s);
  public native string UnpackString(string s);
  public native int Find(string s, string sub, int start);
};

// Random numbers and the square root.
static class Math
{
  public native float Rand(float low, float high);
  public native int Rand(int low, int high);
  public native float Sqrt(float value);
};
