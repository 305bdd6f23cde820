class Message { public string major; };
class B { public int v; public int[] arr; };
class A {
  int m = 4;
  string s = "x";
  B b;
  float fm;
  int[] ia;
  string[] sa;
  Message keep;
  int h(int q) { return q * 2; }
  native int n(string a);
  void f(int i, float x, string t, B o) {
    int k = 5;
    for (i = 0; i < 3; i++) { if (i == 2) continue; k = k + h(i); }
    while (k > 0) { k--; if (k == 1) break; }
    switch (i) { case 3: k = 1; break; case -5: k = 2; default: k = 3; }
    x = x + i; t = "a" + i + x; t = t[1,]; s[0] = 'c';
    o.v++; i = o.v++ + ++o.v; i = ia[0]--; sa[1] = t; ia.copy(ia);
    if (o and t != "") i = i or m; else goto Done;
    Done:
    i = o.isclass(B); ia = new int[3]; o = new B(); i = !o; x = -x;
    wait () {
      on "Ping", "": i = 1;
      on "Pong", "x", keep: break;
    }
    on "Alone", "", keep: i = 2;
  }
};
