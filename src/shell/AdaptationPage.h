#pragma once
// "adaptation" (TabSheet5): the guided adaptation's buttons and its text box.

#include <QWidget>

namespace kelvane {

class AdaptationPage : public QWidget {
    Q_OBJECT
public:
    explicit AdaptationPage(QWidget *parent = nullptr);
};

} // namespace kelvane
