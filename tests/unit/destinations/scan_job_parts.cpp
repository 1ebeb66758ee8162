// The destinations run whole scan jobs: they use the scan job tests' engine and
// stand-ins rather than a second copy of them.
#include "../scan_jobs/fake_engine.cpp"
