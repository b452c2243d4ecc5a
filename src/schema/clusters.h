#pragma once
// CLUSTERS "Clusters": the clusters of the current server as a tree of owners and
// clusters; a cluster shows its type, key size, storage and key columns.
#include <QWidget>

#include <map>
#include <memory>
#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace schema {

class Divisor;

class Clusters : public QWidget {
    Q_OBJECT
public:
    explicit Clusters(shell::AppContext &ctx, QWidget *parent = nullptr);
    ~Clusters() override;

    void GClusters_Click();
    void TreeViewClusters_NodeClick(QTreeWidgetItem *node);

    QString valor(const char *name) const;       // a detail field by its name
    const Divisor &divisor() const { return *AwkViewTree; }

    QTreeWidget *TreeViewClusters;
    QTabWidget *PN_Cluster;
    QRadioButton *PN_CLUSTER_TIPO_INDEX, *PN_CLUSTER_TIPO_HASH;
    QComboBox *PN_CLUSTER_TABLESPACE;
    shell::ResultGrid *PN_CLUSTER_COLUMNAS;
    QPushButton *GClusters, *SClusters;

private:
    void details(const std::string &owner, const std::string &cluster);
    shell::AppContext &m_ctx;
    std::unique_ptr<Divisor> AwkViewTree;
    std::map<std::string, QLineEdit *> m_fields;
};

} // namespace schema
