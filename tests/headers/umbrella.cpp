// A user's translation unit: the umbrella header alone, compiled with the warnings users turn on.
#include <gti/gtikit.h>

int main() {
    return 0;
}
