// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/hints.h"

#include <QAction>
#include <QWidget>

namespace trevak {

namespace {

struct Hint {
  const char* name;
  const char* text;
};

constexpr Hint kHints[] = {
    {"SB_carregar",
     "Carregar biblioteca: abre um arquivo .mod ou uma pasta .pretty no painel de edição "
     "(esquerda)"},
    {"RxSB_limpar", "Nova biblioteca: esvazia o painel de edição (esquerda) para começar outra"},
    {"SB_salvar",
     "Salvar como: grava a biblioteca do painel de edição (esquerda) num arquivo escolhido"},
    {"RxSB_apagar", "Apagar: tira os módulos selecionados do painel de edição (esquerda)"},
    {"RxSpeedButton2",
     "Tirar prefixo: tira o nome da biblioteca seguido de hífen, onde estiver, dos nomes do "
     "painel de edição (esquerda); um nome que ficaria vazio ou repetido fica como está"},
    {"RxSpeedButton4",
     "Copiar nome: escreve o nome de cada módulo do painel de edição (esquerda) no lugar de "
     ">NAME"},
    {"RxSwitch1", "Apresentar textos: mostra ou esconde os textos dos módulos nos desenhos"},
    {"Button1", "Apagar: limpa o desenho do painel de edição (esquerda)"},
    {"Button2", "Converter: redesenha o módulo atual do painel de edição (esquerda)"},
    {"BitBtn1", "+ Zoom: aumenta o desenho do painel de edição (esquerda)"},
    {"BitBtn2", "- Zoom: diminui o desenho do painel de edição (esquerda)"},
    {"BitBtn3", "Normal: desenho do painel de edição (esquerda) no tamanho normal"},
    {"BitBtn7", "Primeiro: vai ao primeiro módulo nos dois painéis"},
    {"BitBtn8", "Próximo: vai ao módulo seguinte nos dois painéis"},
    {"BitBtn9", "Anterior: volta ao módulo anterior nos dois painéis"},
    {"BitBtn10", "Último: vai ao último módulo nos dois painéis"},
    {"RxSB_carregar2",
     "Carregar biblioteca de pesquisa: abre um ou mais arquivos .mod ou .kicad_mod no painel "
     "de pesquisa (direita)"},
    {"EditFiltro",
     "Filtro: mostra no painel de pesquisa (direita) só os módulos com todas as palavras no "
     "nome, na biblioteca, na descrição ou nas palavras-chave (Ctrl+F; Esc limpa)"},
    {"SB_ajustar1", "Ajustar: o desenho do painel de edição (esquerda) ocupa toda a área"},
    {"SB_ajustar2", "Ajustar: o desenho do painel de pesquisa (direita) ocupa toda a área"},
    {"RxSB_copiar",
     "Copiar: copia os módulos selecionados do painel de pesquisa (direita) para o de edição "
     "(esquerda)"},
    {"BitBtn4", "+ Zoom: aumenta o desenho do painel de pesquisa (direita)"},
    {"BitBtn5", "- Zoom: diminui o desenho do painel de pesquisa (direita)"},
    {"BitBtn6", "Normal: desenho do painel de pesquisa (direita) no tamanho normal"},
    {"Carregarbibliotecadepesquisa1", "Abre um arquivo .mod no painel de pesquisa (direita)"},
    {"Carregarbibliotecaparaedio1",
     "Abre um arquivo .mod ou uma pasta .pretty no painel de edição (esquerda)"},
    {"Carregarpastadeorigem1",
     "Abre no painel de pesquisa (direita) uma pasta .pretty, ou todas as bibliotecas .mod e "
     "pastas .pretty de uma pasta e das subpastas"},
    {"CarregarbibliotecasdoKicad1",
     "Abre no painel de pesquisa (direita) as bibliotecas da tabela de bibliotecas do KiCad"},
    {"Exportarbibliotecaparakicad1",
     "Exporta a biblioteca do painel de edição (esquerda) como pasta .pretty do KiCad atual"},
    {"Adicionaratabeladokicad1",
     "Acrescenta uma pasta .pretty (a da última exportação do painel de edição, à esquerda) à "
     "tabela de bibliotecas global do KiCad ou à de um projeto"},
    {"Desenhoexato1",
     "Alterna o desenho de cada painel (edição e pesquisa) entre o esboço e o desenho exato"},
    {"Salvar1",
     "Grava a biblioteca do painel de edição (esquerda) no arquivo de onde veio, sem perguntar "
     "(de uma pasta .pretty, só as pegadas mudadas)"},
    {"Salvarbibliotecaemedio1",
     "Grava a biblioteca do painel de edição (esquerda) num arquivo escolhido"},
    {"Criarnovabibliotecaparaedio1",
     "Esvazia o painel de edição (esquerda) para começar uma biblioteca nova"},
    {"Sair1", "Fecha o Trevak (pergunta antes se houver mudanças não salvas)"},
    {"Desfazer1", "Desfaz a última mudança da biblioteca do painel de edição (esquerda)"},
    {"Sobre1", "Mostra a versão, a licença e os formatos do KiCad que o Trevak lê e grava"},
    {"Refazer1", "Refaz a mudança desfeita na biblioteca do painel de edição (esquerda)"},
    {"Copiarparaedicao1",
     "Copia os módulos selecionados do painel de pesquisa (direita) para o de edição "
     "(esquerda) (Insert)"},
    {"Apagarmodulos1",
     "Tira os módulos selecionados do painel de edição (esquerda) (Delete na lista de nomes)"},
    {"Renomear1", "Muda o nome do módulo atual do painel de edição (esquerda) (F2)"},
    {"Localizar1", "Põe o cursor no filtro do painel de pesquisa (direita) (Ctrl+F)"},
};

}  // namespace

void applyHints(QObject& window) {
  for (const Hint& hint : kHints) {
    const QString text = QString::fromUtf8(hint.text);
    const QString name = QLatin1String(hint.name);
    if (auto* widget = window.findChild<QWidget*>(name)) {
      widget->setStatusTip(text);
      if (widget->toolTip().isEmpty()) widget->setToolTip(text);
    } else if (auto* action = window.findChild<QAction*>(name)) {
      action->setStatusTip(text);
      action->setToolTip(text);
    }
  }
}

}  // namespace trevak
