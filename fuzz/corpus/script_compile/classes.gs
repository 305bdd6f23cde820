static class S { public int k; public native int Twice(int v); };
class P { public int over(int a) { return a; } };
class B { public int v; public int[] arr; };
class C isclass B { public int w; };
class G isclass P {
  B keep = null;
  int seen = keep.v++;
  string[] names;
  public thread void run(int a) { }
  public native string nat(string s);
  public int over(int a) { return inherited(a) + S.k + S.Twice(a); }
  B up(C c) { B b = c; keep = c; return c; }
  C down(B b) { return cast<C>b; }
  void go(G other, string t) {
    other.run(1); me.run(2); t = other.nat("z");
    names = new string[3]; names[1] = t; names = names[,2]; t[1,2] = "ab";
    t = --t[0] + "" + (float) seen;
  }
};
