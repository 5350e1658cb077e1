// A shot-model header that reaches up into the tree search: the check must refuse it.
#include "search/tree/tree.h"
