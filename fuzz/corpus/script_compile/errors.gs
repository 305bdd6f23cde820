class A {
  void p();
  void f(int i) { switch (i) { case 1: case 1: default: break; } goto Missing; }
};
