#pragma once

#include "platform/export.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <cstdint>

namespace numio {

// The rows of the multiplication table chosen to practise, 1 to 10, kept as one bit a row (bit n:
// row n) the way the settings store them.
class NUMIO_EXPORT ChosenRows {
  public:
    static constexpr int kFirst = 1;
    static constexpr int kLast = 10;

    constexpr ChosenRows() = default;
    constexpr explicit ChosenRows(std::uint16_t bits) : bits_(bits) {}
    constexpr std::uint16_t bits() const { return bits_; }

    // Whether `row` is chosen; never one outside 1 to 10.
    constexpr bool contains(long long row) const {
        return row >= kFirst && row <= kLast && (bits_ & (1u << row));
    }
    void set(int row, bool chosen = true);
    // The chosen rows from the smallest.
    QList<int> rows() const;
    bool empty() const { return rows().isEmpty(); }
    // The largest chosen row; 0 when none is.
    int largest() const;

    // "2,7" for the rows 2 and 7, the separator between them; empty when none is chosen.
    QString text(QStringView separator = u",") const;
    // The rows of such a text, blanks around the numbers allowed; an empty text chooses none.
    // Throws Failure 13 for anything else.
    static ChosenRows parse(const QString& text);

    friend bool operator==(ChosenRows, ChosenRows) = default;

  private:
    std::uint16_t bits_ = 0;
};

} // namespace numio
