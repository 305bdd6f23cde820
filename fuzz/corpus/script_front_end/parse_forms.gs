include "foo.gs"
class A isclass B, C
{
  public int x = 5, y;
  define string S = "hi";
  int f(int a, Foo b, Foo[] c)
  {
    int i;
    for (i = 0; i < 10; i++) { x = x + i * 2; }
    if (a) if (b) x = 1; else x = 2;
    while (x) { break; }
    switch (a) { case 1: case 2: x++; break; default: x--; }
    wait() { on "a", "b": x = 1; on "c", "d", m: break; }
    lbl: x = (int) 3.5;
    s = cast<Foo> b;
    c[1, 2] = c[,3];
    c[4,] = null;
    z = new Foo[5];
    z = new int(1,2);
    z = a.size() + b.isclass(Foo) + c.copy(d);
    return -x + ~y - !z
    ;
  }
  void g(void);
  void h(void x) {}
};
