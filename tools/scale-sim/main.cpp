// Placeholder entry; the simulator is being written.
int main() { return 0; }
