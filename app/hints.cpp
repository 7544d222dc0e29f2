// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/hints.h"

#include <QAction>
#include <QCoreApplication>
#include <QWidget>

namespace trevak {

namespace {

struct Hint {
  const char* name;
  const char* text;
};

constexpr Hint kHints[] = {
    {"SB_carregar",
     QT_TRANSLATE_NOOP("trevak::hints",
                       "Carregar biblioteca: abre um arquivo .mod ou uma pasta .pretty no painel "
                       "de edição (esquerda)")},
    {"RxSB_limpar",
     QT_TRANSLATE_NOOP(
         "trevak::hints",
         "Nova biblioteca: esvazia o painel de edição (esquerda) para começar outra")},
    {"SB_salvar",
     QT_TRANSLATE_NOOP(
         "trevak::hints",
         "Salvar como: grava a biblioteca do painel de edição (esquerda) num arquivo escolhido")},
    {"RxSB_apagar",
     QT_TRANSLATE_NOOP("trevak::hints",
                       "Apagar: tira os módulos selecionados do painel de edição (esquerda)")},
    {"RxSpeedButton2",
     QT_TRANSLATE_NOOP(
         "trevak::hints",
         "Tirar prefixo: tira o nome da biblioteca seguido de hífen, onde estiver, dos nomes do "
         "painel de edição (esquerda); um nome que ficaria vazio ou repetido fica como está")},
    {"RxSpeedButton4",
     QT_TRANSLATE_NOOP(
         "trevak::hints",
         "Copiar nome: escreve o nome de cada módulo do painel de edição (esquerda) no lugar de "
         ">NAME")},
    {"RxSwitch1",
     QT_TRANSLATE_NOOP("trevak::hints",
                       "Apresentar textos: mostra ou esconde os textos dos módulos nos desenhos")},
    {"Button1",
     QT_TRANSLATE_NOOP("trevak::hints", "Apagar: limpa o desenho do painel de edição (esquerda)")},
    {"Button2",
     QT_TRANSLATE_NOOP("trevak::hints",
                       "Converter: redesenha o módulo atual do painel de edição (esquerda)")},
    {"BitBtn1", QT_TRANSLATE_NOOP("trevak::hints",
                                  "+ Zoom: aumenta o desenho do painel de edição (esquerda)")},
    {"BitBtn2", QT_TRANSLATE_NOOP("trevak::hints",
                                  "- Zoom: diminui o desenho do painel de edição (esquerda)")},
    {"BitBtn3",
     QT_TRANSLATE_NOOP("trevak::hints",
                       "Normal: desenho do painel de edição (esquerda) no tamanho normal")},
    {"BitBtn7",
     QT_TRANSLATE_NOOP("trevak::hints", "Primeiro: vai ao primeiro módulo nos dois painéis")},
    {"BitBtn8",
     QT_TRANSLATE_NOOP("trevak::hints", "Próximo: vai ao módulo seguinte nos dois painéis")},
    {"BitBtn9",
     QT_TRANSLATE_NOOP("trevak::hints", "Anterior: volta ao módulo anterior nos dois painéis")},
    {"BitBtn10",
     QT_TRANSLATE_NOOP("trevak::hints", "Último: vai ao último módulo nos dois painéis")},
    {"RxSB_carregar2",
     QT_TRANSLATE_NOOP(
         "trevak::hints",
         "Carregar biblioteca de pesquisa: abre um ou mais arquivos .mod ou .kicad_mod no painel "
         "de pesquisa (direita)")},
    {"EditFiltro",
     QT_TRANSLATE_NOOP(
         "trevak::hints",
         "Filtro: mostra no painel de pesquisa (direita) só os módulos com todas as palavras no "
         "nome, na biblioteca, na descrição ou nas palavras-chave (Ctrl+F; Esc limpa)")},
    {"SB_ajustar1",
     QT_TRANSLATE_NOOP("trevak::hints",
                       "Ajustar: o desenho do painel de edição (esquerda) ocupa toda a área")},
    {"SB_ajustar2",
     QT_TRANSLATE_NOOP("trevak::hints",
                       "Ajustar: o desenho do painel de pesquisa (direita) ocupa toda a área")},
    {"RxSB_copiar",
     QT_TRANSLATE_NOOP(
         "trevak::hints",
         "Copiar: copia os módulos selecionados do painel de pesquisa (direita) para o de edição "
         "(esquerda)")},
    {"BitBtn4", QT_TRANSLATE_NOOP("trevak::hints",
                                  "+ Zoom: aumenta o desenho do painel de pesquisa (direita)")},
    {"BitBtn5", QT_TRANSLATE_NOOP("trevak::hints",
                                  "- Zoom: diminui o desenho do painel de pesquisa (direita)")},
    {"BitBtn6",
     QT_TRANSLATE_NOOP("trevak::hints",
                       "Normal: desenho do painel de pesquisa (direita) no tamanho normal")},
    {"Carregarbibliotecadepesquisa1",
     QT_TRANSLATE_NOOP("trevak::hints", "Abre um arquivo .mod no painel de pesquisa (direita)")},
    {"Carregarbibliotecaparaedio1",
     QT_TRANSLATE_NOOP("trevak::hints",
                       "Abre um arquivo .mod ou uma pasta .pretty no painel de edição (esquerda)")},
    {"Carregarpastadeorigem1",
     QT_TRANSLATE_NOOP(
         "trevak::hints",
         "Abre no painel de pesquisa (direita) uma pasta .pretty, ou todas as bibliotecas .mod e "
         "pastas .pretty de uma pasta e das subpastas")},
    {"CarregarbibliotecasdoKicad1",
     QT_TRANSLATE_NOOP(
         "trevak::hints",
         "Abre no painel de pesquisa (direita) as bibliotecas da tabela de bibliotecas do KiCad")},
    {"Exportarbibliotecaparakicad1",
     QT_TRANSLATE_NOOP(
         "trevak::hints",
         "Exporta a biblioteca do painel de edição (esquerda) como pasta .pretty do KiCad atual")},
    {"Adicionaratabeladokicad1",
     QT_TRANSLATE_NOOP(
         "trevak::hints",
         "Acrescenta uma pasta .pretty (a da última exportação do painel de edição, à esquerda) à "
         "tabela de bibliotecas global do KiCad ou à de um projeto")},
    {"Desenhoexato1",
     QT_TRANSLATE_NOOP(
         "trevak::hints",
         "Alterna o desenho de cada painel (edição e pesquisa) entre o esboço e o desenho exato")},
    {"Salvar1", QT_TRANSLATE_NOOP("trevak::hints",
                                  "Grava a biblioteca do painel de edição (esquerda) no arquivo de "
                                  "onde veio, sem perguntar (de uma pasta .pretty, só as pegadas "
                                  "mudadas)")},
    {"Salvarbibliotecaemedio1",
     QT_TRANSLATE_NOOP("trevak::hints",
                       "Grava a biblioteca do painel de edição (esquerda) num arquivo escolhido")},
    {"Criarnovabibliotecaparaedio1",
     QT_TRANSLATE_NOOP("trevak::hints",
                       "Esvazia o painel de edição (esquerda) para começar uma biblioteca nova")},
    {"Idioma_pt", QT_TRANSLATE_NOOP("trevak::hints",
                                    "Fala português na janela, da próxima vez que o Trevak abrir")},
    {"Idioma_en", QT_TRANSLATE_NOOP("trevak::hints",
                                    "Fala inglês na janela, da próxima vez que o Trevak abrir")},
    {"Sair1", QT_TRANSLATE_NOOP("trevak::hints",
                                "Fecha o Trevak (pergunta antes se houver mudanças não salvas)")},
    {"Desfazer1",
     QT_TRANSLATE_NOOP("trevak::hints",
                       "Desfaz a última mudança da biblioteca do painel de edição (esquerda)")},
    {"Sobre1", QT_TRANSLATE_NOOP(
                   "trevak::hints",
                   "Mostra a versão, a licença e os formatos do KiCad que o Trevak lê e grava")},
    {"Refazer1",
     QT_TRANSLATE_NOOP("trevak::hints",
                       "Refaz a mudança desfeita na biblioteca do painel de edição (esquerda)")},
    {"Copiarparaedicao1",
     QT_TRANSLATE_NOOP(
         "trevak::hints",
         "Copia os módulos selecionados do painel de pesquisa (direita) para o de edição "
         "(esquerda) (Insert)")},
    {"Apagarmodulos1",
     QT_TRANSLATE_NOOP(
         "trevak::hints",
         "Tira os módulos selecionados do painel de edição (esquerda) (Delete na lista de nomes)")},
    {"Renomear1",
     QT_TRANSLATE_NOOP("trevak::hints",
                       "Muda o nome do módulo atual do painel de edição (esquerda) (F2)")},
    {"Localizar1",
     QT_TRANSLATE_NOOP("trevak::hints",
                       "Põe o cursor no filtro do painel de pesquisa (direita) (Ctrl+F)")},
};

}  // namespace

void applyHints(QObject& window) {
  for (const Hint& hint : kHints) {
    const QString text = QCoreApplication::translate("trevak::hints", hint.text);
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
