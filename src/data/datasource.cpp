#include "data/datasource.h"

#include "data/table.h"

namespace orvanta {

DataSource::DataSource(Table* dataSet, QObject* parent) : QObject(parent)
{
    setDataSet(dataSet);
}

void DataSource::setDataSet(Table* dataSet)
{
    if (dataSet_)
        disconnect(dataSet_, nullptr, this, nullptr);
    dataSet_ = dataSet;
    if (!dataSet_)
        return;
    connect(dataSet_, &Table::dataChanged, this, [this] { if (enabled_) emit dataChanged(); });
    connect(dataSet_, &Table::currentChanged, this, [this] { if (enabled_) emit currentChanged(); });
    connect(dataSet_, &Table::stateChanged, this, [this] { if (enabled_) emit stateChanged(); });
}

void DataSource::setEnabled(bool on)
{
    if (on == enabled_)
        return;
    enabled_ = on;
    emit enabledChanged(on);
    if (on)
        emit dataChanged();
}

}  // namespace orvanta
