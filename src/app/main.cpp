#include "app/TApplication.h"
#include "app/TForm1.h"

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);
    TForm1 form;
    form.show();
    return app.exec();
}
