// The script machine's workloads; workloads.lua is their Lua twin and must
// print the same checksums.
include "gs.gs"

class Shape
{
  public int edge = 1;
  public int Area(void) { return edge; }
};

class Tagged
{
  public int tag = 3;
};

class Square isclass Tagged, Shape
{
  public int Area(void) { return edge * edge + tag; }
};

class Bench isclass GameObject
{
  public int pings = 0;

  public void Empty(void) { }

  public int Loop(int n)
  {
    int i;
    int acc = 0;
    for (i = 0; i < n; i++) {
      acc = ((acc ^ (i << 3)) + (i >> 2)) & 1048575;
    }
    return acc;
  }

  public int Fib(int n)
  {
    if (n < 2) return n;
    return Fib(n - 1) + Fib(n - 2);
  }

  public int Strings(int n)
  {
    string s = "";
    int i;
    int found = 0;
    for (i = 0; i < n; i++) {
      s = s + "ab" + i;
      found = found + Str.Find(s, "9", 0);
    }
    return found + s.size();
  }

  public int Arrays(int n)
  {
    int[] a = new int[0];
    int i;
    for (i = 0; i < n; i++) a[a.size()] = i;
    int total = 0;
    for (i = 0; i < n; i++) total = (total + a[i]) & 1048575;
    return total;
  }

  public int Objects(int n)
  {
    int total = 0;
    int i;
    for (i = 0; i < n; i++) {
      Shape s;
      if (i & 1) s = new Square(); else s = new Shape();
      s.edge = i & 7;
      total = total + s.Area();
    }
    return total;
  }

  // Ping-pong: each message wakes the other object's thread, which answers.
  thread void Player(Bench other)
  {
    Message m;
    wait () {
      on "Ball", "", m: { pings++; SendMessage(other, "Ball", ""); continue; }
      on "Stop", "": break;
    }
  }
  public void Play(Bench other) { Player(other); }
  thread void Serve(Bench other) { SendMessage(other, "Ball", ""); }
  public void StartServe(Bench other) { Serve(other); }
  public int Pings(void) { return pings; }
};
