#include "app/Main.h"

int main() { return vd::Main(); }
