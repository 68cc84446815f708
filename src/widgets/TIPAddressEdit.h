#pragma once

#include <QLineEdit>

#include <array>
#include <optional>

// An IPv4 address edit: four octets 0-255 separated by dots; nothing else can be typed.
class TIPAddressEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit TIPAddressEdit(QWidget *parent = nullptr);

    // The four octets, or nullopt while the text is not a complete address.
    std::optional<std::array<int, 4>> Octets() const;
    void SetOctets(const std::array<int, 4> &octets);

signals:
    // Return pressed or the focus left the edit.
    void Applied();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
};
