// A member declaration without its semicolon.
class Broken
{
  int speed
};
