#pragma once

#include <QObject>

namespace orvanta {

class Table;

// The link between a dataset and the controls that show it: controls observe
// the source, and a disabled source tells its controls to stop following the
// dataset (a bulk run can switch it off and on again).
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(Table* dataSet = nullptr, QObject* parent = nullptr);

    Table* dataSet() const { return dataSet_; }
    void setDataSet(Table* dataSet);
    bool enabled() const { return enabled_; }
    void setEnabled(bool on);

signals:
    void dataChanged();
    void currentChanged();
    void stateChanged();
    void enabledChanged(bool on);

private:
    Table* dataSet_ = nullptr;
    bool enabled_ = true;
};

}  // namespace orvanta
