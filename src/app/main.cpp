#include "app/TApplication.h"
#include "app/TForm1.h"
#include "session/TBoardModel.h"

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);
    TBoardModel model;
    TForm1 form(model);
    form.show();
    return app.exec();
}
