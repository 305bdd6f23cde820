class Base { public int m; public int f(int a) { return a; } };
