#pragma once

#include "config/ConfigItem.h"
#include "config/ParameterCodec.h"

#include <optional>
#include <vector>

class TTimersPage;
class TUserMessages;

// The parameter transfer table: for every configuration item, the controls of the main window
// that show its registers and the one encoding that page refresh, single writes and whole
// configuration transfers share.
class TTransferTable
{
public:
    static constexpr int kItems = 140;
    // Items from here on (the extended set) are moved only with firmware that has them.
    static constexpr int kBaseItems = TConfigImages::kBaseItems;

    // The rows of items 0 .. kItems-1, as data.
    static const std::vector<TParameterRow> &Rows();
    // Two registers that page refresh and single writes code like the rows, but that belong to
    // no configuration item: the season (0x0216) and the series number (0x0385).
    static const std::vector<TParameterRow> &SideRows();

    // Binds every row to its controls under root (the main window) once at start-up. Returns
    // every problem found, one line each: a missing control, one found twice, one of the wrong
    // kind, a bit box without a proper weight. Rows with a problem stay unbound: they show
    // nothing, and a take through them fails. Take errors are reported to messages.
    QStringList Bind(QWidget &root, TTimersPage &timers, TUserMessages &messages);

    // The bound row of an item (0 .. kItems-1).
    const TParameterCodec &Codec(int item) const { return m_codecs[static_cast<size_t>(item)]; }

    // The row holding register address (configuration rows and side rows), and the address's
    // offset in it; page refresh passes a block's words to the rows starting in it, and an
    // edit handler writes word Offset of its row's take.
    struct TPlace
    {
        const TParameterCodec *Codec;
        int Offset;
    };
    std::optional<TPlace> Locate(quint16 address) const;

    // Shows items 0 .. activeItemCount-1 of image, in item order.
    void ShowImage(const ConfigImage &image, int activeItemCount) const;
    // Takes items 0 .. activeItemCount-1 of image from the window, in item order. At the first
    // control that cannot be taken the walk stops, the error box names the text and the place,
    // and image keeps every value it had; returns whether the image was taken.
    bool TakeImage(ConfigImage &image, int activeItemCount) const;

private:
    std::vector<TParameterCodec> m_codecs;  // the items' rows, then the side rows
    TUserMessages *m_messages = nullptr;
};

// An image shaped by the table: item i has row i's register run, every value 0, and no file
// names (those come from the definition file).
ConfigImage ImageFromTable();
