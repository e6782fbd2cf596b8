// The empty program each folder's library is linked whole into, with only
// the libraries below it: linking it is the check (src/CMakeLists.txt).
int main() { return 0; }
