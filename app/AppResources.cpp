#include "app/AppResources.h"

#include <QtGlobal>

// Outside any namespace, as the resource initialiser requires.
static void InitialiseResources() {
    Q_INIT_RESOURCE(celwright);
}

void LoadAppResources() {
    static const bool loaded = (InitialiseResources(), true);
    (void)loaded;
}
