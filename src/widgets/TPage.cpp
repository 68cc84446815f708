#include "widgets/TPage.h"

#include "config/TransferRows.h"
#include "session/TBoardSession.h"
#include "widgets/TransferTable.h"

void TPage::RefreshItems(int first, int last)
{
    const TRegisterBlock block = BlockOfItems(first, last);
    RefreshBlock(block.Start, block.Count);
}

void TPage::RefreshBlock(quint16 start, quint16 count)
{
    if (!Session().Connected())
        return;
    Session().Read(start, count, {.OnReply = [this, start](const TModbusAnswer &answer) {
                       Table().ShowBlock(start, answer.Registers);
                   }});
}
