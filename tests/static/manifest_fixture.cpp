// The program that carries manifest_fixture.rc; it is never run.
int main() { return 0; }
