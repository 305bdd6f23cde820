class Message { public string major; };
class Shape {
  public int sides = 3;
  public string label = "shape";
  public int Area() { return 0; }
  public string Name() { return label; }
};
class Named { public string title; public string Name() { return "named"; } };
class Square isclass Shape, Named {
  float edge = 2.0;
  Message last;
  public int Area() {
    int i;
    int total = 0;
    for (i = 0; i < sides; i++) {
      switch (i) { case 1: total = total + 2; break; default: total++; }
    }
    return total;
  }
  public string Name() { return "square " + sides; }
  thread void Run() {
    Message m;
    wait() { on "Ping", "": { sides = 4; } on "Stop", "", m: { last = m; return; } }
  }
};
