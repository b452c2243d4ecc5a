// The clusters window against the simulated instance: owners, clusters loaded once
// per owner, the details of an index cluster and of a hash cluster with a null key size.
#include "clusters.h"
#include "windowtest.h"

#include "comun.h"
#include "resultgrid.h"

#include <QComboBox>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

using harness::WindowTest;
using schema::Clusters;

namespace {

QTreeWidgetItem *child(QTreeWidgetItem *item, const QString &text)
{
    for (int i = 0; item && i < item->childCount(); ++i)
        if (item->child(i)->text(0) == text)
            return item->child(i);
    return nullptr;
}

} // namespace

class ClustersTest : public QObject {
    Q_OBJECT
private slots:
    void ownersAndClustersOnce();
    void detailsOfIndexAndHashClusters();
};

void ClustersTest::ownersAndClustersOnce()
{
    WindowTest t;
    auto *w = t.open<Clusters>();
    QVERIFY(w->divisor().hosted());
    t.clearStatements();
    t.click(w, "GClusters");
    QCOMPARE(t.statements(), std::vector<std::string>{"select username from dba_users order by username"});
    QTreeWidgetItem *root = w->TreeViewClusters->topLevelItem(0);
    QCOMPARE(root->text(0), QString("OWNERS"));
    QCOMPARE(root->data(0, schema::kRolClave).toString(), QString("R"));
    QTreeWidgetItem *scott = child(root, "SCOTT");
    QVERIFY(scott);
    QCOMPARE(scott->data(0, schema::kRolDibujo).toInt(), int(schema::Dibujo::Usuario));

    // 'OWNERS.SCOTT' loads SCOTT's clusters once; the root does nothing.
    t.clearStatements();
    w->TreeViewClusters_NodeClick(root);
    w->TreeViewClusters_NodeClick(scott);
    w->TreeViewClusters_NodeClick(scott);
    QCOMPARE(t.statements(), std::vector<std::string>{
                                 "SELECT CLUSTER_NAME FROM DBA_CLUSTERS WHERE OWNER = 'SCOTT' ORDER BY CLUSTER_NAME"});
    QCOMPARE(w->divisor().lastLine(), QString("OWNERS.SCOTT"));
    QCOMPARE(scott->childCount(), 1);
    QCOMPARE(scott->child(0)->text(0), QString("EMP_DEPT"));
    QCOMPARE(scott->child(0)->data(0, schema::kRolClave).toString(), QString("SCOTT|EMP_DEPT"));
    QCOMPARE(scott->child(0)->data(0, schema::kRolDibujo).toInt(), int(schema::Dibujo::Cluster));
    // An owner without clusters: no children, nothing shown.
    w->TreeViewClusters_NodeClick(child(root, "HR"));
    QCOMPARE(child(root, "HR")->childCount(), 0);
}

void ClustersTest::detailsOfIndexAndHashClusters()
{
    WindowTest t;
    auto *w = t.open<Clusters>();
    t.click(w, "GClusters");
    QTreeWidgetItem *root = w->TreeViewClusters->topLevelItem(0);
    w->TreeViewClusters_NodeClick(child(root, "SCOTT"));
    t.clearStatements();
    w->TreeViewClusters_NodeClick(child(child(root, "SCOTT"), "EMP_DEPT"));
    QCOMPARE(w->divisor().lastLine(), QString("OWNERS.SCOTT.EMP_DEPT"));
    QCOMPARE(t.statements(),
             (std::vector<std::string>{
                 "SELECT * FROM DBA_CLUSTERS WHERE OWNER = 'SCOTT' AND CLUSTER_NAME = 'EMP_DEPT'",
                 "SELECT DISTINCT CLU_COLUMN_NAME, DATA_TYPE, DATA_LENGTH FROM DBA_CLU_COLUMNS C, DBA_TAB_COLUMNS T "
                 "WHERE C.OWNER = 'SCOTT' AND C.CLUSTER_NAME = 'EMP_DEPT' AND C.OWNER = T.OWNER AND C.TABLE_NAME = "
                 "T.TABLE_NAME AND C.TAB_COLUMN_NAME = T.COLUMN_NAME"}));
    QCOMPARE(w->valor("PN_CLUSTER_CLUSTER"), QString("EMP_DEPT"));
    QCOMPARE(w->valor("PN_CLUSTER_DUENO"), QString("SCOTT"));
    QCOMPARE(w->valor("PN_CLUSTER_TAMANO"), QString("600"));
    QVERIFY(w->PN_CLUSTER_TIPO_INDEX->isChecked());
    QCOMPARE(w->PN_CLUSTER_TABLESPACE->count(), 1);
    QCOMPARE(w->PN_CLUSTER_TABLESPACE->currentText(), QString("USERS"));
    QCOMPARE(w->valor("PN_CLUSTER_INITIAL"), QString("131072"));
    QCOMPARE(w->valor("PN_CLUSTER_MAXEXTENTS"), QString("505"));
    QCOMPARE(w->valor("PN_CLUSTER_PCTUSED"), QString("40"));
    auto *g = w->PN_CLUSTER_COLUMNAS->grid();
    QCOMPARE(g->dataRows(), 1);
    QCOMPARE(g->text(1, 1), QString("DEPTNO"));
    QVERIFY(g->text(1, 2).startsWith("NUMBER("));

    // A hash cluster whose key size is null shows "Null".
    w->TreeViewClusters_NodeClick(child(root, "VENTAS"));
    w->TreeViewClusters_NodeClick(child(child(root, "VENTAS"), "PRECIOS_CLU"));
    QCOMPARE(w->valor("PN_CLUSTER_TAMANO"), QString("Null"));
    QVERIFY(w->PN_CLUSTER_TIPO_HASH->isChecked());
    QVERIFY(!w->PN_CLUSTER_TIPO_INDEX->isChecked());
    QCOMPARE(g->text(1, 1), QString("LISTA_ID"));
    QCOMPARE(t.prompts.count(), 0u);
}

QTEST_MAIN(ClustersTest)
#include "test_clusters.moc"
