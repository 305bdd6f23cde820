class Base
{
  public int m;
  public int f(int a) { return a + 1; }
  public void g() { }
  define int K = 2 + 3 * 4;
};
class D isclass Base
{
  int own;
  float h(float x, int y)
  {
    int i = 7 / 2;
    float z = 7 / 2.0;
    string s = "a" + "b";
    for (i = 0; i < 10; i++) { own = own + f(i); }
    if (i) { g(); } else { m = K; }
    switch (i) { case 1: break; default: break; }
    return z;
  }
  int bad()
  {
    undeclared = 1;
    int q = 1 / 0;
    bool b = true + 1;
    return;
  }
};
