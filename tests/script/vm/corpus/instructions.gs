// Exercises the instruction set: Run() returns a checksum of everything it
// computed, and the listener thread takes messages and sleeps.
include "gs.gs"

class Part
{
  public int v = 2;
  public string name = "part";
  public Part next;
  public int Value(void) { return v; }
  public int Twice(void) { return 2 * Value(); }
};

class Other
{
  public int w;
};

class Special isclass Other, Part
{
  public int Value(void) { return 10 + inherited(); }
};

class Station isclass GameObject
{
  public int heard = 0;
  public int napped = 0;
  public Part keep;
  public Part[] parts;
  public string text = "";
  public float ratio = 0.5;

  int Ints(int a, int b)
  {
    int s = a + b - a * b + a / b + a % b;
    s = s + (-a) + (~b) + (a & b) + (a | b) + (a ^ b) + (a << 3) + (a >> 1);
    a++; b--; ++a; --b;
    if (a < b) s++; if (a <= b) s++; if (a > b) s++; if (a >= b) s++;
    if (a == b) s++; if (a != b) s++;
    bool t = a > b; bool u = !t; bool w = t and u; bool x = t or u;
    if (w) s = s + 100; if (x) s = s + 1000;
    int i;
    for (i = 0; i < 10; i++) {
      if (i == 3) continue;
      if (i == 8) break;
      s = s + i;
    }
    while (i > 0) { i = i - 3; }
    switch (s % 4) {
      case -3: s = s + 1; break;
      case 0: s = s + 2; break;
      case 2: s = s + 3; break;
      default: s = s + 4;
    }
    return s;
  }

  int Floats(float a, float b)
  {
    float f = a + b - a * b + a / b;
    f = -f; f++; f--;
    if (a < b) f = f + 1.0; if (a >= b) f = f + 2.0; if (a == b) f = f + 3.0;
    if (!a) f = f + 4.0;
    int n = (int)f + (int)(float)7;
    ratio = ratio * 2.0;
    return n;
  }

  int Strings(string a)
  {
    string s = a + "-" + 12 + "-" + 1.5 + "-" + true;
    string t = s[1, 4];
    s[0] = 'Z';
    s[2, 3] = "xyz";
    s[1, 2] = null;
    string c = s;
    int n = s.size() + t.size() + s[0];
    if (a < "b") n++; if (a == "a") n++; if (a != null) n++;
    string e = null;
    string j = e + a;
    text = j + "!";
    n = n + Str.Find(s, "xyz", 0) + Str.ToInt("40");
    string w = "  12 34";
    n = n + Str.UnpackInt(w) + Str.UnpackInt(w);
    string[] tokens = Str.Tokens("a,b,,c", ",");
    n = n + tokens.size();
    return n;
  }

  int Arrays(int count)
  {
    int[] a = new int[count];
    int i;
    for (i = 0; i < count; i++) a[i] = i * i;
    a[count + 2] = 5;
    int[] b = a[1, 3];
    int[] c = new int[0];
    c.copy(a);
    a[0, 2] = b;
    a[1, 2] = null;
    parts = new Part[2];
    parts[0] = new Part();
    parts[1] = new Special();
    parts[3] = parts[0];
    Part[] more = parts[0, 2];
    parts[1, 2] = more;
    int s = a.size() + b.size() + c.size() + a[0] + c[3] + parts.size() + more.size();
    for (i = 0; i < parts.size(); i++) {
      if (parts[i]) s = s + parts[i].Twice();
    }
    return s;
  }

  int Objects(void)
  {
    Part p = new Part();
    Part q = new Special();
    Special sp = cast<Special>(q);
    Special none = cast<Special>(p);
    int s = p.Twice() + q.Twice() + q.Value();
    if (sp) s = s + 1;
    if (!none) s = s + 2;
    if (q.isclass(Other)) s = s + 4;
    if (p.isclass(Special)) s = s + 8;
    if (p != q) s = s + 16;
    if (p == null) s = s + 32;
    p.next = q;
    p.next.v = 7;
    p.next.next = p;
    keep = p.next;
    p.next.next = null;
    s = s + keep.v + p.v;
    p.v = p.v + 1;
    s = s + p.v;
    GameObject me2 = me;
    s = s + GetId() - me2.GetId();
    return s;
  }

  // Assignments whose value is used again.
  int Chains(void)
  {
    int k; int j; Part p; Part q; int y; Part z; int[] r; Part[] rs; int ch; string t;
    int mv; Part nx; int hv; Part kp; float f;
    int[] a = new int[2]; int[] b = new int[1];
    Part[] ps = new Part[1];
    string s = "abc";
    j = k = 3;
    q = p = new Part();
    y = a[0] = 4;
    z = ps[0] = new Part();
    r = a[0, 1] = b;
    rs = ps[0, 1] = ps;
    ch = s[0] = 'q';
    t = s[0, 1] = "xy";
    mv = p.v = 3;
    nx = p.next = q;
    hv = heard = 0;
    kp = keep = p;
    f = 7.5;
    f = f % 2.0;
    string e = "";
    return j + k + y + r.size() + rs.size() + ch + t.size() + mv + nx.v + hv + kp.v + (int)f + e.size();
  }

  public int Run(void)
  {
    return Ints(17, 5) + Floats(1.5, -2.25) + Strings("a") + Arrays(6) + Objects() + Chains();
  }

  thread void Listen(void)
  {
    Message m;
    wait () {
      on "Ping", "", m: { heard++; text = m.minor; continue; }
      on "Nap", "": { Sleep(2.0); napped++; continue; }
      on "Stop", "": break;
    }
  }

  public void Start(void) { Listen(); }
  public void Poke(string minor) { PostMessage(me, "Ping", minor, 0.0); }
  public void Nap(void) { PostMessage(me, "Nap", "", 0.0); }
  public void Stop(void) { PostMessage(me, "Stop", "", 0.5); }
  public int Heard(void) { return heard; }
  public int Napped(void) { return napped; }
  public string Text(void) { return text; }
  public float Ratio(void) { return ratio; }
};
