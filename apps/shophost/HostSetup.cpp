#include "HostSetup.h"

#include <shop/node/SHOP_Node.h>
#include <shop/table/SHOP_TableBuilder.h>

#include <OBJ/OBJ_Node.h>
#include <OP/OP_Director.h>
#include <SOP/SOP_Node.h>

#include <iostream>

void HostSetup::install()
{
    OP_Director *director = OPgetDirector();
    OP_OperatorTable *root = director->getOperatorTable(OP_Director::theRootTableName);
    OBJ_Node::buildOperatorTable(*director->getOperatorTable(OBJ_Node::theTableName), *root);
    SOP_Node::buildOperatorTable(*director->getOperatorTable(SOP_Node::theTableName));
    OP_OperatorTable *shaders = director->getOperatorTable(SHOP_Node::theOpTypeName);
    // Shaders defined as assets, from the assets/ folders of the search path: read before the
    // library installs its clerks, which may name the dialog scripts of assets.
    shaders->readScriptDefinitions(std::cerr);
    SHOP_TableBuilder::buildShaderTable(*shaders);
    shaders->loadScriptOperators(std::cerr);
    root->addOperator(SHOP_TableBuilder::getManagementOperator());

    director->getRoot()->createNode("objnet", "obj");
    director->getRoot()->createNode("shopnet", "shop");
}
