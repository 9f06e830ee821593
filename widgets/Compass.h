// TCompass: a dial with the target, its long path and the antenna's heading, which a click, a drag or a key turns.
#pragma once

#include <QStringList>
#include <QWidget>

#include <optional>

class TCompass : public QWidget {
    Q_OBJECT
public:
    explicit TCompass(QWidget* parent = nullptr);

    // The owner writes what the dial shows; the dial only draws it.
    void SetTarget(std::optional<int> degrees);
    std::optional<int> Target() const { return TargetDegrees; }
    // With the heading read back the needle shows it, and "---" stands for a heading not known; otherwise
    // there is neither. `prefix` begins the heading's line ("Heading: ").
    void SetHeading(bool readBack, std::optional<int> degrees, const QString& prefix);
    std::optional<int> Heading() const { return HeadingDegrees; }
    bool HeadingShown() const { return ReadBack; }
    // The letters of north, east, south and west in the user's language.
    void SetCardinals(const QStringList& letters);
    QStringList Cardinals() const { return CardinalLetters; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user chose this whole-degree azimuth (0..359) by a click, a drag, a key or a screen reader.
    void AzimuthChosen(int degrees);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ChooseAt(const QPointF& point);

    std::optional<int> TargetDegrees;
    bool ReadBack = false;
    std::optional<int> HeadingDegrees;
    QString HeadingPrefix;
    QStringList CardinalLetters{QStringLiteral("N"), QStringLiteral("E"), QStringLiteral("S"), QStringLiteral("W")};
    // The last azimuth a drag chose: a drag within one degree chooses nothing new.
    std::optional<int> DragAzimuth;
};
