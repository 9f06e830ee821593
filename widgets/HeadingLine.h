// THeadingLine: the line that shows where the antenna points, as the controller reports it.
#pragma once

#include <QLabel>

#include <optional>

class THeadingLine : public QLabel {
    Q_OBJECT
public:
    explicit THeadingLine(QWidget* parent = nullptr);

    // `prefix` begins the line ("Heading: "); the degrees follow, "---" when unknown. A screen reader
    // hears the same text as its name and gets a value change when the degrees change.
    void Show(const QString& prefix, std::optional<int> degrees);
    std::optional<int> Degrees() const { return ShownDegrees; }

private:
    QString Prefix;
    std::optional<int> ShownDegrees;
};
