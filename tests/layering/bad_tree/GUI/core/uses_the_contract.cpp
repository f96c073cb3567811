// The contract through its include directory: allowed.
#include <kav_contract.h>
