#include "app/AppContext.h"
#include "app/AutoAnswerOperator.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    AutoAnswerOperator op;
    AppContext ctx(op, QCoreApplication::applicationDirPath());
    ctx.History().AddLine(QStringLiteral("Praxon"));
    return 0;
}
