/* The floor of the benchmark: a static program that only exits. */
int main(void) { return 0; }
