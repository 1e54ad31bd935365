// Keeps the interval box to texts the countdown can use, for text that arrives by paste or drop too.
#pragma once

#include <QValidator>

class IntervalValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};
