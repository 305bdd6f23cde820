include "dump_base.gs"
final class A isclass Base { public string name; };
