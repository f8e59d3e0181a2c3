// Must not compile: core has no widgets.
#include <QWidget>

int ProbeCoreIncludesWidgets() {
    return sizeof(QWidget);
}
