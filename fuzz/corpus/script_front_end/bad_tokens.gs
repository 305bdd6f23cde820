class A { void f() { s = "abc
 x = 0x1F + 1.f2 + ..5; /* open