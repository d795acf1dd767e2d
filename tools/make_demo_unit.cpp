int main() { return 1; }  // replaced by the demo-unit generator
