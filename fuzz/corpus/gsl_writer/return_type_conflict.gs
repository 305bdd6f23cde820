class B { public int f() { return 1; } };
class C isclass B { public void f() {} };
