// Keeps the substitute server library non-empty until its encoders arrive.
namespace mirav::sim {
int SimLibraryAnchor() { return 0; }
}
