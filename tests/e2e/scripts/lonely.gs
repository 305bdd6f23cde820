// Includes a file that does not exist.
include "nowhere.gs"

class Lonely
{
  int alone;
};
