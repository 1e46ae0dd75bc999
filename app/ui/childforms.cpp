#include "childforms.h"

// Forms register here as they are built; until then their menu entries stay disabled.
ChildForms ChildForms::available() {
    ChildForms forms;
    return forms;
}
